x
[fragment]
frag
[vertex] 
[vertex]
    indented
