// A library outside any signed code, for a guest to load.
extern "C" int securityTestLibraryAnswer()
{
    return 42;
}
