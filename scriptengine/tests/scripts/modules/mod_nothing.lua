-- A module that returns nothing: require stores true for it.
mod_nothing_ran = true
