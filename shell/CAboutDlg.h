// The about box (modal) and the splash screen (the same box without buttons or border, hidden
// after "SplashTimer" milliseconds).
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

class CAboutDlg : public QDialog
{
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    // Fills the texts (version, memory, disk, libraries) as of now.
    void OnInitDialog();
    // The link: the maker's page, opened by the desktop.
    void OnLinkClick();

    QLabel* Control(int id) const;
    QPushButton* OkButton() const { return m_ok; }

private:
    QLabel* m_version;   // 1002
    QLabel* m_copyright; // 1003
    QLabel* m_memory;    // 1000
    QLabel* m_disk;      // 1001
    QLabel* m_link;      // 1094
    QLabel* m_freeImage; // 1096
    QLabel* m_fftw;      // 1097
    QPushButton* m_ok;   // 1
};

class CSplashDlg : public CAboutDlg
{
    Q_OBJECT
public:
    explicit CSplashDlg(QWidget* parent = nullptr);
    // Hides the buttons, takes the border off and starts the timer of `milliseconds` (a value
    // beyond what a timer can hold counts as the largest).
    void OnInitDialog(long long milliseconds);
};

// Memory and disk figures of the machine, as the about box shows them.
bool QueryMemory(unsigned long long& available, unsigned long long& total);
bool QueryDiskFree(const QString& folder, unsigned long long& freeBytes);
