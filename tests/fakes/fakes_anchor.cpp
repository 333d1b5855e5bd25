// Keeps the fakes library non-empty while every double is header-only.
