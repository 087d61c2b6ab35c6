/* A program to sign: the signature suite only reads it, never runs it. */
int main(void) {
    return 0;
}
