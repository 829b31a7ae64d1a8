// Proves that this build's programs really run: under Wine without its
// 32-bit part, a 32-bit program exits 0 without running, printing nothing.
#include <cstdio>

int main() {
    std::printf("readerlink probe ran as a %d-bit program\n", static_cast<int>(sizeof(void*) * 8));
    return 0;
}
