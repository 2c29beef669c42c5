[Main]
name=Ghost
virtualToBody=Square
shapeType=extrusionsolid
shapeFile=square.exs
density=1000
thickness=0.01
[Mass properties]
mass=2
inertiaZZ=3
