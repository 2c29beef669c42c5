[Main]
name=Link2
RGBColor=0.8 0.2 0.2
shapeType=extrusionsolid
shapeFile=link.exs
density=2700
thickness=0.02

[startPosition]
Rz=-2.2
