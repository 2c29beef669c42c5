[Main]
name=Point
shapeType=extrusion
shapeFile=square.exs
density=1000
thickness=0.01
