points =6
%%data
0 2 1 2 0 0
0 0 0.5 0 1 0
%%enddata
