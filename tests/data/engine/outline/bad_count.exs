points =5 points
%%data
0 1 1 0 0
0 0 1 1 0
%%enddata
