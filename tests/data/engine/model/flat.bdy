[Main]
name=Line
shapeType=extrusionsolid
shapeFile=flat.exs
density=1000
thickness=0.1
