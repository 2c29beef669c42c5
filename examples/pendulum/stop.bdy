[Main]
name=Stop
RGBColor=0.5 0.5 0.5
shapeType=extrusionsolid
shapeFile=stop.exs
density=7800
thickness=0.1
correctOrigin=0
