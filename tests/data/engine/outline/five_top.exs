points =5
%%data
2 1 0 1 2
1 1 1 0 1
%%enddata
