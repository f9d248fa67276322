#include <cstdio>

int main() {
    std::puts("veltractl: no commands yet");
    return 0;
}
