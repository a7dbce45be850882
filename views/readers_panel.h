// The structure view's panel of other readers: every reader installed here run on the
// bytes the view shows, in the background, each verdict listed as it comes. A reader
// chosen lays the pixels it reads otherwise over the picture, and says what it makes of
// a pixel beside Pixscope's reading.
#pragma once

#include "readers/run_readers.h"
#include "structure/structure_model.h"

#include <QWidget>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace views {

class ReadersPanel : public QWidget {
public:
    explicit ReadersPanel(const structure::StructureModel& model, QWidget* parent = nullptr);
    ~ReadersPanel() override;

    // Stops a run and waits for it: the model's bytes must outlive the readers' work.
    void Halt();
    // The chosen reader's differing pixels, or an empty function when it has none to show.
    std::function<void(std::function<bool(std::int64_t x, std::int64_t y)>)> onLayer;
    // What the chosen reader reads at a pixel beside Pixscope's reading, and the pixel's
    // bytes; empty when no reader with a picture is chosen.
    std::string PixelNote(std::int64_t x, std::int64_t y) const;

private:
    void Run();
    void Stop();
    void Listed(unsigned run, const std::vector<readers::Installed>& found);
    void Ended(unsigned run, const readers::ReaderVerdict& v);
    void Finished(unsigned run, std::shared_ptr<const readers::FileVerdicts> result);
    void Choose();
    const readers::ReaderVerdict* Chosen() const;
    std::string Tally(const char* before) const;

    const structure::StructureModel& m_model;
    QPushButton* m_run;
    QPushButton* m_stopButton;
    QLabel* m_progress;
    QTreeWidget* m_list;
    QLabel* m_chosenLine;

    std::thread m_worker;
    std::atomic<bool> m_stop{false};
    unsigned m_runs = 0; // what a run posts after a newer one began is dropped
    std::size_t m_ended = 0;
    std::shared_ptr<const readers::FileVerdicts> m_result;
};

} // namespace views
