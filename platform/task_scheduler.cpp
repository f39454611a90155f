#include "platform/task_scheduler.h"

#include <utility>

#include "platform/scoped_bstr.h"

namespace zu {
namespace {

// The service and a folder both open folders by path: GetFolder.
template <typename Opener>
bool OpenFolderBelow(Opener* opener, const wchar_t* path, ComPtr<ITaskFolder>* folder) {
    ScopedBstr bstr(::SysAllocString(path));
    ComPtr<ITaskFolder> opened;
    if (!bstr || FAILED(opener->GetFolder(bstr.Get(), opened.Receive())) || !opened) {
        return false;
    }
    *folder = std::move(opened);
    return true;
}

}  // namespace

bool ConnectTaskService(ComPtr<ITaskService>* service) {
    ComPtr<ITaskService> created;
    if (FAILED(::CoCreateInstance(CLSID_TaskScheduler, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_ITaskService, created.ReceiveVoid())) ||
        !created) {
        return false;
    }
    // Empty arguments: the local machine, the current user.
    VARIANT server, user, domain, password;
    ::VariantInit(&server);
    ::VariantInit(&user);
    ::VariantInit(&domain);
    ::VariantInit(&password);
    if (FAILED(created->Connect(server, user, domain, password))) {
        return false;
    }
    *service = std::move(created);
    return true;
}

bool OpenTaskFolder(ITaskService* service, const wchar_t* path, ComPtr<ITaskFolder>* folder) {
    return OpenFolderBelow(service, path, folder);
}

bool OpenChildTaskFolder(ITaskFolder* parent, const wchar_t* name, ComPtr<ITaskFolder>* child) {
    return OpenFolderBelow(parent, name, child);
}

}  // namespace zu
