#pragma once
// Opening a web address in the person's browser.

#include <QUrl>

class WebOpener {
  public:
    virtual ~WebOpener() = default;
    // Returns at once; a failure to open stays silent.
    virtual void Open(const QUrl& address) = 0;
};

class QtWebOpener : public WebOpener {
  public:
    void Open(const QUrl& address) override;
};
