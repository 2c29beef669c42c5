[Main]
name=Backwards
shapeType=extrusionsolid
shapeFile=square_cw.exs
density=1000
thickness=0.1
