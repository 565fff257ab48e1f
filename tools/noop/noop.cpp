// A sibling that does nothing: the baseline of the launch benchmark.
int main() { return 0; }
