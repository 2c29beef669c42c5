points =5
%%data
0 1 2 1 0
0 0 0 1 0
%%enddata
