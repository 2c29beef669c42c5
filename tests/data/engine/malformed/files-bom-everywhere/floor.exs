points =5
%%data
-2	2	2	-2	-2	
-0.5	-0.5	0	0	-0.5	
%%enddata
