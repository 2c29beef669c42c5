[Main]
name=Backwards
shapeType=extrusionsolid
shapeFile=square_cw.exs
