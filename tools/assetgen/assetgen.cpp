// Placeholder, replaced by the asset generator.
int main() { return 0; }
