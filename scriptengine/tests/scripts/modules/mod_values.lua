return 1, "two", L"three"
