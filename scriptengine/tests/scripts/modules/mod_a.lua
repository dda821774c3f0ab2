-- A module for the require tests: counts its loads and remembers the name it was required by.
loads_of_mod_a = (loads_of_mod_a or 0) + 1
return {name = _REQUIREDNAME, value = 42}
