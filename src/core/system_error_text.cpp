#include "core/system_error_text.h"

#include <QList>
#include <QPair>
#include <cerrno>

namespace tolvane::system_error {

namespace {

// Qt words a file error as strerror() of its errno; comparing with the same function's text finds the
// errno without depending on the language the C library speaks.
const QList<QPair<int, QString>>& chineseWords() {
    static const QList<QPair<int, QString>> words{
        {EIO, QStringLiteral("读写出错，磁盘、存储设备或文件系统可能有问题")},
        {EINVAL, QStringLiteral("系统不接受这个操作，文件系统可能不支持这种读写或这个文件名")},
        {EACCES, QStringLiteral("没有访问权限")},
        {EPERM, QStringLiteral("系统不允许这个操作")},
        {ENOENT, QStringLiteral("文件或文件夹不存在")},
        {ENOTDIR, QStringLiteral("路径中有一部分不是文件夹")},
        {EISDIR, QStringLiteral("这是一个文件夹")},
        {ENOSPC, QStringLiteral("磁盘空间不足")},
        {EDQUOT, QStringLiteral("超出了磁盘配额")},
        {EROFS, QStringLiteral("文件系统是只读的")},
        {ENAMETOOLONG, QStringLiteral("文件名过长")},
        {EFBIG, QStringLiteral("文件过大")},
        {EBUSY, QStringLiteral("文件或设备正被占用")},
        {EMFILE, QStringLiteral("打开的文件过多")},
        {ENFILE, QStringLiteral("系统打开的文件过多")},
        {ELOOP, QStringLiteral("符号链接层数过多")},
        {ENXIO, QStringLiteral("设备不存在或未就绪")},
        {ENODEV, QStringLiteral("设备不存在")},
        {ESTALE, QStringLiteral("网络文件系统上的文件已失效")},
    };
    return words;
}

} // namespace

QString inChinese(const QString& systemText) {
    for (const auto& [code, words] : chineseWords()) {
        if (systemText == qt_error_string(code))
            return words;
    }
    return systemText;
}

} // namespace tolvane::system_error
