[Main]
name=Link1
RGBColor=0.2 0.7 0.3
shapeType=extrusionsolid
shapeFile=link.exs
density=2700
thickness=0.02

[startPosition]
Rz=-1.3
