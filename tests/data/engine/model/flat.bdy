[Main]
name=Line
shapeType=extrusionsolid
shapeFile=flat.exs
