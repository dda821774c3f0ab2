-- Backtracking search over boolean tables: counts the solutions of the n-queens problem.
-- Columns and diagonals in use are marked true in a table and set back to nil on return.
local function queens(n)
  local cols, up, down = {}, {}, {}
  local count = 0
  local function place(row)
    if row > n then
      count = count + 1
      return
    end
    for c = 1, n do
      local u, d = row + c, row - c + n
      if not cols[c] and not up[u] and not down[d] then
        cols[c] = true; up[u] = true; down[d] = true
        place(row + 1)
        cols[c] = nil; up[u] = nil; down[d] = nil
      end
    end
  end
  place(1)
  return count
end
local total = 0
for round = 1, 12 do
  for n = 4, 10 do
    total = total + queens(n)
  end
end
print(total)
