// The entry point of Glimmerdale.scr.
int main() { return 1; }
