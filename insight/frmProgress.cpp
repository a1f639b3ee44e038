#include "insight/frmProgress.h"

#include <algorithm>

#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "core/PluginFile.h"
#include "core/UserSettings.h"
#include "data/DataGlobals.h"
#include "data/DbScope.h"
#include "data/ProgressData.h"
#include "insight/ChartView.h"
#include "platform/GenModuleUi.h"

frmProgress::frmProgress(QWidget *parent)
    : QWidget(parent)
    , m_candidate(new QComboBox(this))
    , m_summary(new QLabel(this))
{
    setObjectName(QStringLiteral("frmProgress"));
    setWindowTitle(QStringLiteral(" Progress"));
    m_candidate->setObjectName(QStringLiteral("cboCandidate"));
    m_candidate->setAccessibleName(QStringLiteral("Candidate"));
    m_candidate->setMinimumContentsLength(18);
    m_candidate->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_summary->setObjectName(QStringLiteral("lblSummary"));
    auto *candidateLabel = new QLabel(QStringLiteral("&Candidate:"), this);
    candidateLabel->setBuddy(m_candidate);
    auto *top = new QHBoxLayout;
    top->addWidget(candidateLabel);
    top->addWidget(m_candidate);
    top->addSpacing(12);
    top->addWidget(m_summary, 1);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(top);
    connect(m_candidate, &QComboBox::currentTextChanged, this, &frmProgress::drawCandidate);
    resize(720, 480);
}

frmProgress::~frmProgress()
{
    UnregisterLoadedForm(this);
}

bool frmProgress::loadView(QString *error)
{
    auto *factory = PluginFile::load<ChartViewFactory>(kChartViewFile, error);
    if (!factory)
        return false;
    m_view = factory->create(this);
    m_view->setHiddenLines(UserSettings::hiddenChartLines());
    m_view->onHiddenLinesChanged([](const QStringList &hidden) { UserSettings::setHiddenChartLines(hidden); });
    static_cast<QVBoxLayout *>(layout())->addWidget(m_view->widget(), 1);
    return true;
}

void frmProgress::Form_Load()
{
    RegisterLoadedForm(this);
}

void frmProgress::closeEvent(QCloseEvent *event)
{
    Form_Unload();
    event->accept();
}

void frmProgress::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    UnregisterLoadedForm(this);
}

void frmProgress::showCandidate(const QString &userName)
{
    m_first = userName;
    refresh();
    m_candidate->setCurrentIndex(m_candidate->findText(userName, Qt::MatchExactly | Qt::MatchCaseSensitive));
    if (m_candidate->currentIndex() < 0 && m_candidate->count() > 0)
        m_candidate->setCurrentIndex(0);
    drawCandidate(m_candidate->currentText());
}

void frmProgress::refresh()
{
    const QString shown = m_candidate->currentText();
    QStringList names;
    {
        DbScope scope;
        names = ProgressData::candidates(scope.db(), m_first);
    }
    {
        // Filling the list is no choice of the user's: the chart is drawn once, below.
        const QSignalBlocker quiet(m_candidate);
        m_candidate->clear();
        m_candidate->addItems(names);
        const int keep = int(names.indexOf(shown));
        m_candidate->setCurrentIndex(keep >= 0 ? keep : (names.isEmpty() ? -1 : 0));
    }
    drawCandidate(m_candidate->currentText());
}

void frmProgress::drawCandidate(const QString &userName)
{
    std::vector<ProgressData::Exam> exams;
    {
        DbScope scope;
        if (!userName.isEmpty())
            exams = ProgressData::examsOf(scope.db(), userName);
    }
    m_chart = ProgressData::chart(userName, exams, UserSettings::passMark());
    const auto practice = std::count_if(exams.begin(), exams.end(), [](const auto &e) { return e.practice; });
    setWindowTitle(userName.isEmpty() ? QStringLiteral(" Progress") : QStringLiteral(" Progress: ") + userName);
    m_summary->setText(QStringLiteral("%1 scored exam(s), %2 of them practice; pass mark %3 %")
                           .arg(m_chart.exams)
                           .arg(practice)
                           .arg(m_chart.passMark));
    if (m_view)
        m_view->setChart(m_chart);
}
