[Main]
name=Box
RGBColor=0.2 0.4 0.9
shapeType=extrusionsolid
shapeFile=box.exs
density=1000
thickness=0

[startPosition]
x=-0.3
y=0.4
Rz=0.5

[startVelocity]
x=0.8
Rz=1
