-- Shared checks for the library conformance scripts. Each script runs its tables of cases
-- through these functions and ends with done(), which raises when any check failed, so the
-- runner's exit status tells the result.

checks = 0
failures = 0

-- The arguments as a table with their count in n, so nil values are kept.
function A(...)
  return arg
end

function show(v)
  local t = type(v)
  if t == "string" or t == "wstring" then
    return string.format("%Q", v)
  end
  return tostring(v)
end

local function showlist(l)
  local parts = {}
  for i = 1, l.n do
    parts[i] = show(l[i])
  end
  return "(" .. table.concat(parts, ", ") .. ")"
end

function same(a, b)
  if type(a) ~= type(b) then return false end
  if a ~= a and b ~= b then return true end  -- NaN
  return a == b
end

local function fail(name, text)
  failures = failures + 1
  print("FAIL " .. name .. ": " .. text)
end

-- One value.
function check(name, got, expect)
  checks = checks + 1
  if not same(got, expect) then
    fail(name, "got " .. show(got) .. ", expected " .. show(expect))
  end
end

-- Two lists made by A(...).
function checklist(name, got, expect)
  checks = checks + 1
  local good = got.n == expect.n
  if good then
    for i = 1, got.n do
      if not same(got[i], expect[i]) then good = false end
    end
  end
  if not good then
    fail(name, "got " .. showlist(got) .. ", expected " .. showlist(expect))
  end
end

-- Runs f in protected mode and checks that its error message holds msg (plain text).
function E(name, f, msg)
  checks = checks + 1
  local ok, e = pcall(f)
  if ok then
    fail(name, "no error, expected " .. show(msg))
  elseif type(e) ~= "string" or not string.find(e, msg, 1, true) then
    fail(name, "error " .. show(e) .. ", expected one holding " .. show(msg))
  end
end

-- Runs a table of cases {name-or-function, A(args), A(results)} against library functions
-- found in lib (a table) by name.
function runcases(title, lib, cases)
  for i = 1, table.getn(cases) do
    local c = cases[i]
    local f = lib[c[1]]
    checklist(title .. "." .. c[1] .. " #" .. i, A(f(unpack(c[2]))), c[3])
  end
end

function done(title)
  if failures > 0 then
    error(title .. ": " .. failures .. " of " .. checks .. " checks failed", 0)
  end
  print(title .. ": " .. checks .. " checks passed")
end

-- The folder of the running script, for names given to the file layer ("::" + host path).
scriptdir = string.gsub(arg[0], "[^/]*$", "")

-- The runner passes "gcstress" when the engine collects at every allocation check.
gcstress = arg[1] == "gcstress"
