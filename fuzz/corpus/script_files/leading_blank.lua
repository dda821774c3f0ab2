

x = {1, 2, "three"}
for k, v in x do y = v end
