// Placeholder translation unit for a library that has no sources of its own yet.
