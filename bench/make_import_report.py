#!/usr/bin/python3
"""Writes a marketplace order report of many orders as an Excel 97-2003
workbook, for bench_import:
    /usr/bin/python3 bench/make_import_report.py OUT.xls ORDERS

The report looks like one a shop saved from Excel: its worksheet tarnvale,
the marketplace's headers in its own order with columns the import does not
read, order numbers as ="..." formulas with their text results (as Excel
keeps them), mobiles as numbers, payment times as date cells, Chinese names,
addresses and titles.
"""
import datetime
import struct
import sys

import xlwt
from xlwt import BIFFRecords
from xlwt.Cell import FormulaCell


class TextResultFormulaCell(FormulaCell):
    """A formula cell with its text result: xlwt leaves the result empty,
    Excel writes it into a STRING record right behind the formula."""
    __slots__ = ['text']

    def __init__(self, cell, text):
        FormulaCell.__init__(self, cell.rowx, cell.colx, cell.xf_idx, cell.frmla, cell.calc_flags)
        self.text = text

    def get_biff_data(self):
        formula = BIFFRecords.FormulaRecord(self.rowx, self.colx, self.xf_idx, self.frmla.rpn(),
                                            self.calc_flags).get()
        # The result field (8 bytes after the record's 4-byte header and the
        # 6 bytes of row, column and style): type 0, a text that follows.
        result = struct.pack('<Q', 0xFFFF000000000000)
        formula = formula[:10] + result + formula[18:]
        body = struct.pack('<HB', len(self.text), 0) + self.text.encode('latin-1')
        return formula + struct.pack('<HH', 0x0207, len(body)) + body


HEADERS = ['订单编号', '买家会员名', '买家支付宝账号', '买家应付货款', '买家实际支付金额', '订单状态', '买家留言',
           '收货人姓名', '收货地址', '运送方式', '联系电话', '联系手机', '订单创建时间', '订单付款时间', '宝贝标题',
           '宝贝种类', '宝贝总数量', '商家备注']

FAMILY = '张王李刘陈杨赵黄周吴'
GIVEN = '伟芳娜敏静丽强磊军洋勇艳'
PLACES = ['北京市 朝阳区 建国路', '上海市 浦东新区 张江路', '广东省 深圳市 南山区 科技园路',
          '江苏省 南京市 鼓楼区 中山北路', '浙江省 杭州市 西湖区 文三路']
COURIERS = ['申通快递', '圆通速递', '中通快递', '顺丰速运', '韵达快递', 'EMS']
ITEMS = ['纯棉T恤 男款 白色XL', '陶瓷马克杯 350ml', '帆布双肩包', '不锈钢保温杯', '无线蓝牙耳机', '手机壳 透明']


def main(path, orders):
    book = xlwt.Workbook(encoding='utf-8')
    sheet = book.add_sheet('tarnvale')
    when = xlwt.easyxf(num_format_str='YYYY-MM-DD HH:MM:SS')
    for c, h in enumerate(HEADERS):
        sheet.write(0, c, h)
    start = datetime.datetime(2026, 11, 1, 8, 0, 0)
    for n in range(orders):
        r = n + 1
        number = str(1930679858170000 + n)
        sheet.write(r, 0, xlwt.Formula('"%s"' % number))
        row = sheet.row(r)
        row._Row__cells[0] = TextResultFormulaCell(row._Row__cells[0], number)
        name = FAMILY[n % 10] + GIVEN[(n // 10) % 12]
        quantity = 1 + n % 3
        paid = round(9.9 * (1 + n % 20) * quantity, 2)
        created = start + datetime.timedelta(minutes=7 * n)
        sheet.write(r, 1, 'tb_%s%05d' % ('buyer', n % 5000))
        sheet.write(r, 2, 'buyer%d@example.com' % (n % 5000))
        sheet.write(r, 3, paid + 8)
        sheet.write(r, 4, paid)
        sheet.write(r, 5, '等待发货')
        if n % 9 == 0:
            sheet.write(r, 6, '请尽快发货，谢谢！')
        sheet.write(r, 7, name)
        sheet.write(r, 8, '%s%d号%d栋%d室' % (PLACES[n % 5], n % 997, n % 31, n % 1201))
        sheet.write(r, 9, COURIERS[n % 6])
        if n % 4 == 0:
            sheet.write(r, 10, '0571-8888%04d' % (n % 10000))
        sheet.write(r, 11, 13800000000 + n * 7919 % 99999999)
        sheet.write(r, 12, created, when)
        sheet.write(r, 13, created + datetime.timedelta(minutes=3, seconds=n % 60), when)
        sheet.write(r, 14, ITEMS[n % 6])
        sheet.write(r, 15, 1)
        sheet.write(r, 16, quantity)
    book.save(path)


main(sys.argv[1], int(sys.argv[2]))
