points =1
%%data
0
0
%%enddata
