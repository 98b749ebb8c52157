// Placeholder; filled as the subsystem is built.
