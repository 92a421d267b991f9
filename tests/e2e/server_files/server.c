/* A COM server's file for the end-to-end check of the servers under Wine:
   nothing but a file with a version resource, in each machine type and as
   a library or a program. Wine never loads it. */
#ifdef SERVER_LIBRARY
__declspec(dllexport) int vemdrolTestServer(void) { return 22; }
#else
int main(void) { return 0; }
#endif
