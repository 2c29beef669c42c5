[Main]
name=Lost
shapeType=extrusionsolid
shapeFile=nothere.exs
