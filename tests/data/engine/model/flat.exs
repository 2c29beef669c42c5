points =4
%%data
0 1 2 0
0 1 2 0
%%enddata
