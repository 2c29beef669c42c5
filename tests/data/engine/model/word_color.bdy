[Main]
name=Odd
RGBColor=1 red 0
