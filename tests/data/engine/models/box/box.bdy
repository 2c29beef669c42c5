[Main]
name=Box
shapeType=extrusionsolid
shapeFile=box.exs
density=1000
thickness=0.05

[startPosition]
y=0.3
