[Main]
name=Hand
shapeType=none

[Mass properties]
mass=0.5

[startPosition]
x=7
y=-1

[startVelocity]
x=0.25
