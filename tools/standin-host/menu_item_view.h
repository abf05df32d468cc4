// The host's MenuItem object for an item already in a stand-in window's menu bar: what a host hands the
// add-in's Item object when it asks whether an item can be chosen. Misbehaviour rules of the host apply
// under the kind "MenuItem".
#pragma once

#include "refhost/application.h"

namespace standin {

fw::ComPtr<IDispatch> MakeMenuItem(const std::shared_ptr<refhost::Host>& host,
                                   const std::shared_ptr<refhost::Window>& window,
                                   const std::shared_ptr<refhost::MenuItemModel>& item);

} // namespace standin
