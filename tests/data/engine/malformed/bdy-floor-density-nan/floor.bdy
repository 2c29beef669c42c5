[Main]
name=Floor
RGBColor=0.5 0.5 0.5
shapeType=extrusionsolid
shapeFile=floor.exs
density=NaN
thickness=0.2
correctOrigin=0
