[Main]
name=Ghost
shapeType=ExtrusionSolid
shapeFile=square.exs
density=1000
thickness=0.01
correctOrigin=1
virtualToBody=Square
[Mass properties]
mass=2
inertiaXX=1.5
inertiaZZ=3
