#pragma once
// The automation interface of Quorvel, the file server, over the D-Bus
// session bus. The names here are a contract with servers built elsewhere:
//
//   well-known name  com.menthak.Quorvel (made startable by a .service file)
//   object path      /com/menthak/Quorvel
//   interface        com.menthak.IQuorvelx
//   methods          GetEditorText, GetEditorFileName, GetSelectedFileName:
//                    no arguments, one variant ("v") answer, read as text
//
// Every call has a bounded timeout, and every failure (an error reply, no
// answer in time, an answer of the wrong shape) is raised as EParlune.
// Accepted answers: a variant holding a string, a number or a boolean
// (read as its text), or nothing (read as ""); arrays, byte arrays,
// structures, dictionaries, object paths, signatures, file descriptors and
// nested variants are refused.

#include <QString>
#include <memory>

namespace Quorvel_TLB {

// The identifiers of the automation class and interface the bus names stand for.
inline const QString CLASS_Quorvelx = QStringLiteral("{AE30ABE2-A70F-4635-919D-BED832613A11}");
inline const QString IID_IQuorvelx = QStringLiteral("{F8C1EF0A-A850-47A4-83E6-19DA44B65041}");
inline const QString kServiceName = QStringLiteral("com.menthak.Quorvel");
inline const QString kObjectPath = QStringLiteral("/com/menthak/Quorvel");
inline const QString kInterfaceName = QStringLiteral("com.menthak.IQuorvelx");

// How long a call may take before it ends with an error (milliseconds).
// Starting the server may take longer than answering a call. A whole
// loading operation, start included, may take operationMs at most.
void SetTimeouts(int callMs, int startMs, int operationMs = 10000);
int CallTimeout();
int StartTimeout();
int OperationTimeout();

// While one lives, every call ends by one shared deadline, OperationTimeout
// from its creation: a server that answers each call slowly, or never
// claims its name, holds up the window for that long at most. A call
// after the deadline fails at once.
class TOperationDeadline
{
public:
    TOperationDeadline();
    ~TOperationDeadline();
    TOperationDeadline(const TOperationDeadline &) = delete;
    TOperationDeadline &operator=(const TOperationDeadline &) = delete;
};

class IQuorvelx
{
public:
    virtual ~IQuorvelx() = default;
    virtual QString GetEditorText() = 0;
    virtual QString GetEditorFileName() = 0;
    virtual QString GetSelectedFileName() = 0;
};

// Starts the server through the bus (or finds it started) and checks that
// its object offers the interface; raises what failed.
struct CoQuorvelx
{
    static std::unique_ptr<IQuorvelx> Create();
};

// Whether a server is running; never starts anything. A lookup that fails
// (no bus) finds none.
bool ServerRunning();
// The running server's object, checked for the interface (raises if it lacks it).
std::unique_ptr<IQuorvelx> GetActiveObject();

} // namespace Quorvel_TLB
