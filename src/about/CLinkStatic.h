#pragma once
// A text label that works as a link: drawn in link colours (visited once it
// opened), optionally underlined, a tooltip with its target, a cursor of its
// own, and fitted to its text. A click opens the target through the desktop,
// falling back to the ".htm" open command; a failure beeps and says why.

#include <QColor>
#include <QCursor>
#include <QLabel>

#include "about/LinkOpening.h"

namespace tsrn::about {

class CLinkStatic : public QLabel {
    Q_OBJECT
  public:
    CLinkStatic(LinkLauncher& launcher, registry::RegistryDatabase& registry, Prompter& prompter,
                QWidget* parent = nullptr);

    // Takes the label's text as target when none is set, shows the target
    // when the text is empty, fits, and sets up cursor and tooltip.
    void Attach();

    void ChangeUrl(const QString& target);
    void ChangeColours(const QColor& link, const QColor& visited);
    void MarkVisited(bool visited);
    void ShowUnderline(bool underline);
    void EnableFitToText(bool fit);
    void SetLinkCursor(const QCursor& cursor);
    int OpenLink(const QString& target);
    void FitToText();

    const QString& Target() const { return target_; }
    bool Visited() const { return visited_; }
    QColor CurrentColour() const { return visited_ ? visitedColour_ : linkColour_; }
    bool Underlined() const { return underline_; }

  signals:
    void clicked();

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    void Click();
    void Restyle();

    QColor linkColour_{0, 0, 238};
    QColor visitedColour_{85, 26, 139};
    bool visited_ = false;
    bool underline_ = true;
    bool fitToText_ = true;
    QString target_;
    LinkLauncher& launcher_;
    registry::RegistryDatabase& registry_;
    Prompter& prompter_;
};

}  // namespace tsrn::about
