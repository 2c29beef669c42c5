[Main]
name=Bar
RGBColor=0.9 0.6 0.1
shapeType=extrusionsolid
shapeFile=bar.exs
density=2700
thickness=0.02

[startPosition]
Rz=-1.2
