// Linked into every program of an AddressSanitizer build. A library unloaded
// before exit (Mesa's GL driver, for one) takes the pointers to what it
// allocated with it: LeakSanitizer then reports those blocks against no module,
// and no suppression can name them. Keeping every library mapped leaves them
// reachable, as they are in a program that does not unload anything.
extern "C" int dlclose(void *)
{
    return 0;
}
