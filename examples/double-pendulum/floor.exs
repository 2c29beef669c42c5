points =5
%%data
-2	2	2	-2	-2	
-1.3	-1.3	-0.8	-0.8	-1.3	
%%enddata
