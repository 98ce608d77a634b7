/* A 32-bit program with resources but no version resource. */
int mainCRTStartup(void) { return 0; }
