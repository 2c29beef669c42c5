[Main]
name=Ball
shapeType=none

[Mass properties]
mass=2
inertiaZZ=0.1

[startPosition]
y=10
