while true do pcall(error, "caught") end
