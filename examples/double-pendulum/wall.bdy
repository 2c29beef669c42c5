[Main]
name=Wall
RGBColor=0.5 0.5 0.5
shapeType=extrusionsolid
shapeFile=wall.exs
density=1000
thickness=0.3
correctOrigin=0
