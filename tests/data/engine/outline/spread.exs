outline of a unit square, written by hand
Points =  5
comment between the count and the data
%%DATA
0 1
 1 0
0 this rest of the line is skipped
0	0 1 1 0
%%enddata
