points =3
%%data
-0.1	0.1	-0.1	
0	0	0	
%%enddata
