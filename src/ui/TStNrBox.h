#pragma once

#include <QComboBox>
#include <QElapsedTimer>
#include <functional>
#include <string>
#include <vector>

// The start-number list cbStNr: the closed box shows the number, the open list each number
// with its starter's name. Typed digits and letters pick a starter through Find, which is asked
// with everything typed in quick succession ("5", then "59"). In the closed box the typed
// starter is picked at once and reported as `activated`, as a click is; in the open list the
// highlight moves there and Enter picks it. UI thread only.
class TStNrBox : public QComboBox {
public:
    explicit TStNrBox(QWidget* parent = nullptr);

    // The item a typed text picks, -1 for none.
    std::function<int(const std::string& typed)> Find;

    // Numbers and names item by item; nothing happens when they are what the box shows.
    void SetEntries(const std::vector<std::string>& numbers, const std::vector<std::string>& names);
    // The text an item shows in the open list: "12  Anna Muster".
    QString EntryText(int index) const;

    // Adds typed text to what was typed just before; the item that finds, -1 for none.
    int Search(const QString& text);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::vector<std::string> numbers_;
    std::vector<std::string> names_;
    QString typed_;
    QElapsedTimer lastKey_;
};
