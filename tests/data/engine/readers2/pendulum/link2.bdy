[Main]
name=Link2
shapeType=none

[Mass properties]
mass=1
inertiaZZ=0.12

[startPosition]
Rz=-0.2

[startVelocity]
Rz=-0.7
