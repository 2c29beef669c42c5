[Main]
name=Broken
shapeType=extrusionsolid
shapeFile=few_numbers.exs
density=1000
thickness=0.1
