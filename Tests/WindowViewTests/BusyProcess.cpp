// Keeps half the processors busy until it is killed. Every thread's time is
// the process's, so a sampling of this machine ranks it above any process
// that runs on one thread, however many of those load the machine.
#include <algorithm>
#include <thread>
#include <vector>

int main()
{
    const unsigned count = std::max(2u, std::thread::hardware_concurrency() / 2);
    std::vector<std::thread> threads;
    for (unsigned index = 0; index < count; ++index) {
        threads.emplace_back([] {
            volatile unsigned long turns = 0;
            while (true) {
                turns = turns + 1;
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
}
