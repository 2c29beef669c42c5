points =4
%%data
0 3 0 0
0 0 3 0
%%enddata
