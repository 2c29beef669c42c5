[Main]
name=Odd
RGBColor=1 0
shapeType=extrusionsolid
shapeFile=square.exs
