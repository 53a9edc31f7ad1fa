// The floor of start-up: the smallest Qt Widgets program that shows one empty window of the agenda's
// size (1440 × 900) on the same platform. Once the window's first paint has finished it prints the
// same line as calvora_startup_probe and ends:
//   painted_ns <CLOCK_MONOTONIC in ns> rss_kb <VmRSS> hwm_kb <VmHWM>
#include <QApplication>
#include <QPaintEvent>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

// VmRSS or VmHWM from /proc/self/status, in kB (0 where unavailable); read without Qt, as the probe
// reads it, so the floor links nothing but Qt Widgets.
long long statusKb(const char* field)
{
    FILE* status = std::fopen("/proc/self/status", "r");
    if (!status)
        return 0;
    char line[256];
    long long kb = 0;
    const size_t length = std::strlen(field);
    while (std::fgets(line, sizeof line, status))
        if (std::strncmp(line, field, length) == 0)
            kb = std::atoll(line + length);
    std::fclose(status);
    return kb;
}

void report()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    std::printf("painted_ns %lld rss_kb %lld hwm_kb %lld\n",
                static_cast<long long>(now.tv_sec) * 1000000000 + now.tv_nsec, statusKb("VmRSS:"), statusKb("VmHWM:"));
    std::fflush(stdout);
    std::_Exit(0);
}

class EmptyWindow : public QWidget {
protected:
    void paintEvent(QPaintEvent* event) override
    {
        QWidget::paintEvent(event);
        if (!m_painted) {
            m_painted = true;
            QTimer::singleShot(0, qApp, report);
        }
    }

private:
    bool m_painted = false;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    EmptyWindow window;
    window.resize(1440, 900);
    window.show();
    return QApplication::exec();
}
