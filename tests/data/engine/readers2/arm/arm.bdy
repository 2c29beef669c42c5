[Main]
name=Arm
shapeType=none

[Mass properties]
mass=3
inertiaXX=0.1
inertiaYY=0.2
inertiaZZ=0.5
inertiaXY=-0.25
inertiaXZ=0.05
inertiaYZ=0.07

[startPosition]
x=1.5
Rz=0.4

[startVelocity]
Rz=2
