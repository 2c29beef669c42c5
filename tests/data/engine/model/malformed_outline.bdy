[Main]
name=Broken
shapeType=extrusionsolid
shapeFile=few_numbers.exs
