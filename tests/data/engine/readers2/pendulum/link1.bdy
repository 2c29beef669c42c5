[Main]
name=Link1
shapeType=none

[Mass properties]
mass=2
inertiaZZ=0.375

[startPosition]
Rz=0.3

[startVelocity]
Rz=1.1
