/* A 64-bit program with nothing but an entry point and a version resource. */
int mainCRTStartup(void) { return 0; }
