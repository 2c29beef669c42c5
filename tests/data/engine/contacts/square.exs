points =5
%%data
0 1 1 0 0
0 0 1 1 0
%%enddata
