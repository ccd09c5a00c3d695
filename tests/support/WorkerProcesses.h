#pragma once
#include <QCoreApplication>
#include <QMap>
#include <QProcess>
#include <QStringList>
#include <memory>
#include <vector>

// Copies of the test binary started as other windows or PCs: each is told its role and folders
// through the environment, says what it reached on standard output ("paused at <step>",
// "waiting", "result <what>") and is killed when the test ends.
class WorkerProcesses {
public:
    WorkerProcesses() = default;
    WorkerProcesses(const WorkerProcesses&) = delete;
    WorkerProcesses& operator=(const WorkerProcesses&) = delete;
    ~WorkerProcesses() { KillAll(); }

    // `account`: setpriv's arguments, ending with a copy of the binary that account can run.
    QProcess& Start(const QMap<QString, QString>& environment, const QStringList& account = {})
    {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (auto it = environment.cbegin(); it != environment.cend(); ++it)
            env.insert(it.key(), it.value());
        process->setProcessEnvironment(env);
        if (account.isEmpty())
            process->start(QCoreApplication::applicationFilePath(), {});
        else
            process->start("setpriv", account);
        Processes.push_back(std::move(process));
        return *Processes.back();
    }

    // Reads the worker's lines until `line` comes; false when the worker ends first.
    static bool WaitForLine(QProcess& p, const QByteArray& line)
    {
        for (;;) {
            while (p.canReadLine())
                if (p.readLine().trimmed() == line)
                    return true;
            if (!p.waitForReadyRead(60000))
                return false;
        }
    }

    // Waits for the worker to end well and returns what it printed after "result ", or why it failed.
    static QByteArray Result(QProcess& p)
    {
        if (!p.waitForFinished(120000))
            return "(still running)";
        if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
            return "(failed) " + p.readAllStandardError();
        QByteArray result = "(no result)";
        while (p.canReadLine()) {
            const QByteArray line = p.readLine().trimmed();
            if (line.startsWith("result "))
                result = line.mid(7);
        }
        return result;
    }

    void KillAll()
    {
        for (auto& p : Processes) {
            p->kill();
            p->waitForFinished(10000);
        }
        Processes.clear();
    }

private:
    std::vector<std::unique_ptr<QProcess>> Processes;
};
