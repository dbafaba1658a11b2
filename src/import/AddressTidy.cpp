#include "import/AddressTidy.h"

#include "core/Gbk.h"
#include "core/TextValue.h"

namespace kx {

namespace {

// In the layout each name is three characters and is followed by a blank, so
// the street begins at character 12, which is GBK byte 22.
constexpr qsizetype nameLength = 3;
constexpr qsizetype streetStart = 3 * (nameLength + 1);

qsizetype gbkBytes(QChar c)
{
    return Gbk::encode(QStringView(&c, 1)).size();
}

// A name character of the layout: one that takes two GBK bytes, so the fixed
// byte positions meet character boundaries, and that is not itself a blank.
bool isNameCharacter(QChar c)
{
    return !c.isSpace() && gbkBytes(c) == 2;
}

bool isBlank(QChar c)
{
    return c == u' ';
}

// Province, city and district of three double-byte characters each, blanks
// between them, and after the district either the end of the text or the
// blank before the street. Only then do the fixed byte positions of the tidy
// (city 8–13, district 15–20, street from 22) fall between characters.
bool inLayout(const QString& address)
{
    if (address.size() < streetStart - 1)
        return false;
    for (qsizetype i = 0; i < streetStart; ++i) {
        if (i == address.size())
            return i == streetStart - 1;
        const bool blankPlace = i % (nameLength + 1) == nameLength;
        if (blankPlace ? !isBlank(address.at(i)) : !isNameCharacter(address.at(i)))
            return false;
    }
    return true;
}

}  // namespace

QString AddressTidy::tidy(const QString& address)
{
    // A character GBK lacks would come back from the byte form as "?".
    if (Gbk::decode(Gbk::encode(address)) != address)
        return address;
    if (!inLayout(address))
        return address;

    const QString province = address.mid(0, nameLength);
    const QString city = address.mid(nameLength + 1, nameLength);
    const QString district = address.mid(2 * (nameLength + 1), nameLength);
    // The whole street: the waybill shrinks a long address to fit its box,
    // so a cut would only lose the house number.
    QString street = address.mid(streetStart);

    // One name after the other, each over what the one before left: a
    // repetition that only forms once another is removed stays.
    street.remove(province, Qt::CaseSensitive);
    street.remove(city, Qt::CaseSensitive);
    street.remove(district, Qt::CaseSensitive);

    return trimControl(province + city + district + street);
}

}  // namespace kx
