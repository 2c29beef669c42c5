[Main]
name=Bar
shapeType=extrusionsolid
shapeFile=bar.exs
density=2700
thickness=0.02

[startPosition]
Rz=-1.2
