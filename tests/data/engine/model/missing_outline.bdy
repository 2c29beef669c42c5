[Main]
name=Lost
shapeType=extrusionsolid
shapeFile=nothere.exs
density=1000
thickness=0.1
