#include "win/icon_grid/icon_grid_accessible.h"

#include <commctrl.h>
#include <oleacc.h>

#include <atomic>
#include <memory>
#include <string>

#include "win/held_folder.h"
#include "win/icon_grid/icon_grid.h"

namespace win {

namespace {

// Child ids are item indexes plus one; CHILDID_SELF is the list itself.
class IconGridAccessible final : public IAccessible {
public:
    explicit IconGridAccessible(HWND grid) : m_grid(grid) {}

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IAccessible) {
            *object = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_references; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --m_references;
        if (left == 0) std::unique_ptr<IconGridAccessible> last(this);
        return left;
    }

    // IDispatch: clients use the interface's own methods.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count) *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        if (!parent) return E_POINTER;
        return AccessibleObjectFromWindow(m_grid, static_cast<DWORD>(OBJID_WINDOW), IID_IDispatch,
                                          reinterpret_cast<void**>(parent));
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
        if (!count) return E_POINTER;
        *count = Count();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT, IDispatch** child) override {
        if (!child) return E_POINTER;
        *child = nullptr;
        return S_FALSE;  // items are simple elements of the list
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT id, BSTR* name) override {
        if (!name) return E_POINTER;
        *name = nullptr;
        const long child = ChildOf(id);
        if (child < 0) return E_INVALIDARG;
        return Text(child == CHILDID_SELF ? WindowName() : ItemName(child - 1), name);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT, BSTR* value) override {
        if (value) *value = nullptr;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT, BSTR* text) override {
        if (text) *text = nullptr;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT id, VARIANT* role) override {
        if (!role) return E_POINTER;
        const long child = ChildOf(id);
        if (child < 0) return E_INVALIDARG;
        role->vt = VT_I4;
        role->lVal = child == CHILDID_SELF ? ROLE_SYSTEM_LIST : ROLE_SYSTEM_LISTITEM;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT id, VARIANT* state) override {
        if (!state) return E_POINTER;
        const long child = ChildOf(id);
        if (child < 0) return E_INVALIDARG;
        const bool focused = GetFocus() == m_grid;
        long bits = STATE_SYSTEM_FOCUSABLE;
        if (child == CHILDID_SELF) {
            if (focused) bits |= STATE_SYSTEM_FOCUSED;
        } else {
            const UINT item = static_cast<UINT>(ListView_GetItemState(m_grid, child - 1,
                                                                    LVIS_SELECTED | LVIS_FOCUSED | LVIS_STATEIMAGEMASK));
            bits |= STATE_SYSTEM_SELECTABLE | STATE_SYSTEM_MULTISELECTABLE;
            if (item & LVIS_SELECTED) bits |= STATE_SYSTEM_SELECTED;
            if ((item & LVIS_FOCUSED) && focused) bits |= STATE_SYSTEM_FOCUSED;
            if ((item & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2)) bits |= STATE_SYSTEM_CHECKED;
        }
        state->vt = VT_I4;
        state->lVal = bits;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT, BSTR* help) override {
        if (help) *help = nullptr;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, long* topic) override {
        if (file) *file = nullptr;
        if (topic) *topic = 0;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT, BSTR* shortcut) override {
        if (shortcut) *shortcut = nullptr;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
        if (!focus) return E_POINTER;
        VariantInit(focus);
        if (GetFocus() != m_grid) return S_FALSE;
        const int item = ListView_GetNextItem(m_grid, -1, LVNI_FOCUSED);
        focus->vt = VT_I4;
        focus->lVal = item >= 0 ? item + 1 : CHILDID_SELF;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
        if (!selection) return E_POINTER;
        VariantInit(selection);
        const int item = ListView_GetNextItem(m_grid, -1, LVNI_SELECTED);
        if (item < 0) return S_FALSE;
        selection->vt = VT_I4;
        selection->lVal = item + 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT, BSTR* action) override {
        if (action) *action = nullptr;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT id) override {
        const long child = ChildOf(id);
        if (child <= 0) return E_INVALIDARG;
        const int item = static_cast<int>(child - 1);
        if (flags & SELFLAG_TAKESELECTION) ListView_SetItemState(m_grid, -1, 0, LVIS_SELECTED);
        if (flags & (SELFLAG_TAKESELECTION | SELFLAG_ADDSELECTION))
            ListView_SetItemState(m_grid, item, LVIS_SELECTED, LVIS_SELECTED);
        if (flags & SELFLAG_REMOVESELECTION) ListView_SetItemState(m_grid, item, 0, LVIS_SELECTED);
        if (flags & SELFLAG_TAKEFOCUS) {
            SetFocus(m_grid);
            ListView_SetItemState(m_grid, item, LVIS_FOCUSED, LVIS_FOCUSED);
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT id) override {
        if (!left || !top || !width || !height) return E_POINTER;
        const long child = ChildOf(id);
        if (child < 0) return E_INVALIDARG;
        RECT rect{LVIR_BOUNDS, 0, 0, 0};
        if (child == CHILDID_SELF) {
            GetClientRect(m_grid, &rect);
        } else if (!ListView_GetItemRect(m_grid, child - 1, &rect, LVIR_BOUNDS)) {
            return E_INVALIDARG;
        }
        MapWindowPoints(m_grid, HWND_DESKTOP, reinterpret_cast<POINT*>(&rect), 2);
        *left = rect.left, *top = rect.top, *width = rect.right - rect.left, *height = rect.bottom - rect.top;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long, VARIANT, VARIANT* end) override {
        if (end) VariantInit(end);
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* hit) override {
        if (!hit) return E_POINTER;
        VariantInit(hit);
        POINT point{x, y};
        ScreenToClient(m_grid, &point);
        RECT client{};
        GetClientRect(m_grid, &client);
        if (!PtInRect(&client, point)) return S_FALSE;
        LVHITTESTINFO info{};
        info.pt = point;
        const int item = ListView_HitTest(m_grid, &info);
        hit->vt = VT_I4;
        hit->lVal = item >= 0 ? item + 1 : CHILDID_SELF;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT) override { return DISP_E_MEMBERNOTFOUND; }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

private:
    long Count() const { return static_cast<long>(ListView_GetItemCount(m_grid)); }

    // The child id of a VARIANT, -1 when it names nothing here.
    long ChildOf(const VARIANT& id) const {
        if (id.vt != VT_I4) return -1;
        if (id.lVal == CHILDID_SELF) return CHILDID_SELF;
        return id.lVal > 0 && id.lVal <= Count() ? id.lVal : -1;
    }

    std::string WindowName() const {
        char text[256] = {};
        GetWindowTextA(m_grid, text, sizeof text);
        return text;
    }

    // The item's tip as the parent gives it, its lines joined by commas.
    std::string ItemName(long item) const {
        std::string name;
        for (char c : AskItemTip(m_grid, static_cast<int>(item))) {
            if (c == '\r') continue;
            if (c == '\n') name += ", ";
            else name += c;
        }
        return name;
    }

    static HRESULT Text(const std::string& text, BSTR* out) {
        if (text.empty()) return S_FALSE;
        const std::wstring wide = WidenAnsi(text);
        *out = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
        return *out ? S_OK : E_OUTOFMEMORY;
    }

    HWND m_grid;
    std::atomic<ULONG> m_references{1};
};

}  // namespace

IAccessible* NewIconGridAccessible(HWND grid) { return std::make_unique<IconGridAccessible>(grid).release(); }

LRESULT AnswerIconGridGetObject(HWND grid, WPARAM wParam, LPARAM lParam) {
    if (static_cast<DWORD>(lParam) != static_cast<DWORD>(OBJID_CLIENT)) return 0;
    IAccessible* made = NewIconGridAccessible(grid);
    // LresultFromObject holds its own reference; ours goes now.
    const LRESULT result = LresultFromObject(IID_IAccessible, wParam, made);
    made->Release();
    return result > 0 ? result : 0;
}

void AnnounceIconGridFocus(HWND grid, int item) {
    if (item >= 0 && GetFocus() == grid) NotifyWinEvent(EVENT_OBJECT_FOCUS, grid, OBJID_CLIENT, item + 1);
}

}  // namespace win
