points =9
%%data
0 1 2 2 2 1 0 0 0
0 0 0 1 2 2 2 1 0
%%enddata
