points =5
%%data
-0.1	NaN	0.1	-0.1	-0.1	
-0.05	-0.05	0.05	0.05	-0.05	
%%enddata
