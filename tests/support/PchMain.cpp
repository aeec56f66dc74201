// Holds the precompiled GoogleTest header that every test binary reuses; runs no test of its own.
