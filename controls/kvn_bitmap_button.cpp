#include "controls/kvn_bitmap_button.h"

CKVNBitmapButton::CKVNBitmapButton(QWidget* parent) : QAbstractButton(parent)
{
    setFocusPolicy(Qt::StrongFocus);
}

bool CKVNBitmapButton::LoadBitmaps(unsigned int up, unsigned int down, unsigned int focus,
                                   unsigned int disabled)
{
    for (CMaskedBitmap& picture : pictures)
        picture.Release();
    if (!pictures[Up].Load(up))
        return false;
    resize(pictures[Up].Size());
    const unsigned int requested[PictureCount] = {up, down, focus, disabled};
    bool allLoaded = true;
    for (int picture = Down; picture < PictureCount; ++picture) {
        if (requested[picture] == 0)
            continue;
        allLoaded = pictures[picture].Load(requested[picture]) && allLoaded;
        pictures[picture].Size();
    }
    return allLoaded;
}

CMaskedBitmap& CKVNBitmapButton::Shown()
{
    struct Rule
    {
        Picture picture;
        bool (*applies)(const QAbstractButton&);
    };
    static constexpr Rule Rules[] = {
        {Down, [](const QAbstractButton& button) { return button.isDown(); }},
        {Focus, [](const QAbstractButton& button) { return button.hasFocus(); }},
        {Disabled, [](const QAbstractButton& button) { return !button.isEnabled(); }},
    };
    for (const Rule& rule : Rules) {
        if (rule.applies(*this) && !pictures[rule.picture].Size().isEmpty())
            return pictures[rule.picture];
    }
    return pictures[Up];
}

void CKVNBitmapButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    Shown().Draw(painter, 0, 0);
}
