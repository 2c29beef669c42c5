[Main]
name=Heavy
RGBColor=0.5, 0.25 1
shapeType=ExtrusionSolid
shapeFile=SQUARE.EXS
density=1000
thickness=0.01
skinThickness=0.002
correctOrigin=0
maximumDisplacementFactor=0.125
[Mass properties]
mass=2
inertiaXX=1.5
inertiaYZ=-0.5
inertiaZZ=3
