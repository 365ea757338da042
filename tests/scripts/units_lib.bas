Function Half(x)
  Return x / 2
End Function
lg("unit line")
