-- Fills a freshly loaded database (without the demo) with three years of a
-- large plant, for timing the journal, the timesheet and the reports:
-- 300 workers, 2 000 products, 5 000 operations with norm steps, weekly
-- requisitions, materials with stock, and 2024-01-01..2026-12-31 in four
-- shifts, about 900 journal positions a day, with their timesheet.
--
--   psql -v ON_ERROR_STOP=1 -q -d DATABASE -f bench/generate.sql
--
-- Set-based statements only; pseudo-random values come from random() after a
-- fixed seed, so every run produces the same data.

\set ON_ERROR_STOP 1
set client_min_messages = warning;
select setseed(0.4242) \g /dev/null

begin;

-- ---------------------------------------------------------------- staff

insert into hrms_staffpos.staffpos (id, s_caption)
select n, t from unnest(array['Сборщик мебели', 'Маляр', 'Шлифовщик', 'Упаковщик',
                              'Станочник', 'Мастер участка', 'Обойщик мебели', 'Оператор ЧПУ'])
              with ordinality u(t, n);

-- Worker n has person id 100000 + n and worker number 2000 + n.
insert into cmn_contractor.person (id, s_code, s_caption, b_employee)
select 100000 + n, (2000 + n)::text,
       format('%s%s %s.%s.',
              (array['Иванов', 'Петров', 'Сидоров', 'Кузнецов', 'Попов', 'Васильев', 'Соколов',
                     'Михайлов', 'Новиков', 'Фёдоров', 'Морозов', 'Волков', 'Алексеев', 'Лебедев',
                     'Семёнов', 'Егоров', 'Павлов', 'Козлов', 'Степанов', 'Николаев', 'Орлов',
                     'Андреев', 'Макаров', 'Никитин', 'Захаров', 'Зайцев', 'Соловьёв', 'Борисов',
                     'Яковлев', 'Григорьев', 'Романов', 'Воробьёв', 'Сергеев', 'Фролов',
                     'Александров', 'Дмитриев', 'Королёв', 'Гусев', 'Киселёв', 'Ильин'])[1 + n % 40],
              case when n % 5 = 0 then 'а' else '' end,
              substr('АБВГДЕЗИКЛМНОПРСТФЭЮЯ', 1 + (n * 7) % 21, 1),
              substr('АБВГДЕИКЛМНОПРСТФЮЯ', 1 + (n * 11) % 19, 1)),
       true
from generate_series(1, 300) n;

insert into hrms_movement.movement (id, id_employee, id_staffpos, d_begin, d_end)
select 200000 + n, 100000 + n, 1 + n % 8, date '2010-01-01' + (n * 13) % 5000,
       case when n % 50 = 0 then date '2023-12-31' end
from generate_series(1, 300) n;

-- ---------------------------------------------------------------- goods

-- Products: goods ids 1000001..1002000; paints 1 and RAL numbers; materials
-- 2000001..2000300.
insert into cmn_gds_and_srv.gds_and_srv (id, s_caption, s_msm_ident)
select 1000000 + n,
       format('%s И-%s', (array['Стул', 'Табурет', 'Стол', 'Шкаф', 'Полка', 'Тумба', 'Комод', 'Кровать'])[1 + n % 8], n),
       'шт'
from generate_series(1, 2000) n;

insert into cmn_gds_and_srv.gds_and_srv (id, s_caption, s_msm_ident)
select c, case when c = 1 then 'Грунт ГФ-021' else format('Эмаль RAL %s', c) end, 'кг'
from unnest(array[1, 1015, 3020, 5005, 6005, 7035, 8017, 9003, 9005, 9010]) c;

insert into cmn_gds_and_srv.gds_and_srv (id, s_caption, s_msm_ident)
select 2000000 + n, format('Материал № %s', n), (array['шт', 'м', 'м2', 'кг'])[1 + n % 4]
from generate_series(1, 300) n;

insert into cmn_gds_and_srv.gds_attr (id, f_color_qty)
select 1000000 + n, round((0.05 + random() * 0.4)::numeric, 3)
from generate_series(1, 2000) n where n % 2 = 0;

insert into mnf_operation.operation (id, id_gds_to, id_gds_from, f_qty_from)
select 3000000 + (n - 1) * 3 + k, 1000000 + n, 2000001 + (n * 7 + k * 101) % 300,
       round((0.1 + random() * 5)::numeric, 4)
from generate_series(1, 2000) n cross join generate_series(1, 3) k;

insert into whs_stock.stock (id, s_caption) values (1, 'Склад материалов'), (2, 'Склад ЛКМ');
insert into whs_stock.consignment (id, id_gds, id_stock, s_number, d_date)
select 4000000 + row_number() over (order by g.id, b), g.id, case when g.id < 10000 then 2 else 1 end,
       format('%s-%s', b, g.id % 10000), date '2026-06-01' + b * 60
from cmn_gds_and_srv.gds_and_srv g cross join generate_series(1, 2) b
where g.id < 10000 or g.id > 2000000;
insert into whs_stock.balance (id_consignment, f_qty)
select id, round((1000 + random() * 100000)::numeric, 3) from whs_stock.consignment;

-- ---------------------------------------------------------------- products and operations

insert into accounts_dep.izdel (id, marka, nom, massa)
select 1000000 + n,
       case when n % 97 = 0 then E'\t' else '' end || format('И-%s', n),
       format('Группа %s', 1 + n % 20),
       round((0.1 + random() * 3)::numeric, 5)
from generate_series(1, 2000) n;

insert into accounts_dep.vid_oper (vid)
select v from unnest(array['Раскрой', 'Сверловка', 'Шлифовка', 'Сборка', 'Грунтовка',
                           'Покраска', 'Обивка', 'Упаковка', 'Фрезеровка', 'Кромление']) v;

-- 5 000 operations: three kinds of work for products 1..1000, two for the
-- rest. The insert trigger gives each its first norm step.
insert into accounts_dep.oper (vid, naimen, i_id, cena_new, cena)
select v.id, case when k = 1 then 1 else 0 end, 1000000 + n, p.price, round(p.price::numeric * 0.9, 2)
from generate_series(1, 2000) n
cross join generate_series(1, 3) k
join accounts_dep.vid_oper v on v.vid = (array['Раскрой', 'Сверловка', 'Шлифовка', 'Сборка', 'Грунтовка',
                                               'Покраска', 'Обивка', 'Упаковка', 'Фрезеровка', 'Кромление'])
                                        [1 + (n + k * 3) % 10]
cross join lateral (select round((3 + random() * 60)::numeric, 2)::double precision as price) p
where k <= case when n <= 1000 then 3 else 2 end
order by n, k;

insert into accounts_dep.norm (o_id, norma, price, prize)
select id, 40, round((cena_new * 1.1)::numeric, 2), 5 from accounts_dep.oper where id % 3 <> 0;
insert into accounts_dep.norm (o_id, norma, price, prize)
select id, 80, round((cena_new * 1.2)::numeric, 2), 10 from accounts_dep.oper where id % 3 = 1;

-- ---------------------------------------------------------------- requisitions

-- One requisition a week with five lines; the last six weeks are open.
insert into mnf_doc.doc (id, s_number, d_date, b_closed)
select 5000000 + w, (100 + w)::text, date '2023-12-25' + w * 7, w < 152
from generate_series(0, 157) w;

insert into mnf_doc.doc_item (id, id_doc, id_gds, id_gds_color, f_qty)
select 6000000 + w * 5 + j, 5000000 + w, 1000001 + (w * 37 + j * 401) % 2000,
       case when j % 2 = 0 then (array[0, 1, 1015, 3020, 5005, 6005, 7035, 8017, 9003, 9005])[1 + (w + j) % 10]
            else 0 end,
       0
from generate_series(0, 157) w cross join generate_series(0, 4) j;

-- ---------------------------------------------------------------- journal

-- The operations of each product with their lowest price and whether a norm
-- step with a bonus exists.
create temporary table gen_prod on commit drop as
select o.i_id,
       array_agg(o.id order by o.id) as opers,
       array_agg(n.price order by o.id) as prices,
       array_agg(n.bonus order by o.id) as bonus
from accounts_dep.oper o
join (select o_id, min(price) as price, bool_or(norma = 40) as bonus
      from accounts_dep.norm group by o_id) n on n.o_id = o.id
group by o.i_id;

create temporary table gen_line on commit drop as
select di.id, di.id_doc, di.id_gds, di.id_gds_color,
       (di.id - 6000000)::int / 5 as w, (di.id - 6000000)::int % 5 as j
from mnf_doc.doc_item di;

-- Positions per date: shift 1: 480, shift 2: 360, shift 3: 180 on working
-- days (weekends: a third of it), overtime 60. Shift pools: workers 1-130,
-- 131-230, 231-290; overtime anyone.
create temporary table gen_pos on commit drop as
select d.data, s.smena, i,
       extract(isodow from d.data)::int >= 6 as day_off,
       case s.smena when 1 then 1 + i % 130 when 2 then 131 + i % 100
                    when 3 then 231 + i % 60 else 1 + (i * 7 + (d.data - date '2024-01-01')) % 300 end as w,
       random() as r1, random() as r2, random() as r3, random() as r4
from (select g::date as data
      from generate_series(date '2024-01-01', date '2026-12-31', interval '1 day') g) d
cross join (values (1, 480), (2, 360), (3, 180), (4, 60)) s(smena, cnt)
cross join lateral generate_series(1, case when extract(isodow from d.data) >= 6 and s.smena < 4
                                           then s.cnt / 3 else s.cnt end) i;

insert into accounts_dep.smena
    (data, smena, w_id, i_id, o_id, cena, kol_vo, brak, time, color, ok, vvod,
     prize, id_doc, id_doc_item, f_gds_qty_use, id_gds_use, id_cons_use)
select p.data, p.smena, 2000 + p.w, l.id_gds, g.opers[k],
       round((g.prices[k] * case when p.day_off then 2 else 1 end
              * case p.smena when 3 then 1.2 when 4 then 1.5 else 1 end)::numeric, 4),
       q.kol_vo, q.brak,
       1 + floor(p.r3 * 3)::int,
       case when k = 2 and l.id_gds_color <> 0 then l.id_gds_color else 0 end,
       st.ok,
       p.data + interval '16 hours',
       case when st.ok = 'ok' and g.bonus[k] and q.kol_vo - q.brak >= 40 then 5 else 0 end,
       case when p.data >= '2025-01-01' then l.id_doc else 0 end,
       case when p.data >= '2025-01-01' then l.id else 0 end,
       0, 0, 0
from gen_pos p
join gen_line l on l.w = (p.data - date '2023-12-25') / 7 and l.j = floor(p.r1 * 5)::int
join gen_prod g on g.i_id = l.id_gds
cross join lateral (select 1 + floor(p.r2 * cardinality(g.opers))::int as k) kk
cross join lateral (select round((5 + p.r4 * 55)::numeric * 2) / 2 as kol_vo_n) kv
cross join lateral (
    select kv.kol_vo_n::double precision as kol_vo,
           case when (p.i + p.w) % 19 = 0 then 1 + (p.i % 3) else 0 end as brak
) q
cross join lateral (
    select case when p.data > date '2026-12-21' then 'no'
                when (p.i * 31 + p.w) % 1009 = 0 then 'ta'
                when p.data < '2025-01-01' and (p.i + p.w) % 97 = 0 then 'да'
                else 'ok' end as ok
) st
order by p.data, p.smena, p.i;

-- Requisition quantities: closed ones made exactly, open ones need a fifth more.
update mnf_doc.doc_item di
set f_qty = case when x.b_closed then coalesce(x.made, 100)
                 else ceil(coalesce(x.made, 0) * 1.2) + 50 end
from (
    select i.id, d.b_closed, m.made
    from mnf_doc.doc_item i
    join mnf_doc.doc d on d.id = i.id_doc
    left join (select id_doc_item, sum(kol_vo)::numeric as made
               from accounts_dep.smena where id_doc_item <> 0 and ok <> 'ta'
               group by id_doc_item) m on m.id_doc_item = i.id
) x
where x.id = di.id;

-- Material consumption of the last quarter's positions.
insert into accounts_dep.smena_gds_use (id_smena, id_gds_use, f_qty_use, id_cons_use)
select s.id, o.id_gds_from, round((s.kol_vo * o.f_qty_from)::numeric, 3), null
from accounts_dep.smena s
join mnf_operation.operation o on o.id_gds_to = s.i_id
                              and o.id = 3000000 + (s.i_id - 1000001) * 3 + 1
where s.data >= '2026-10-01' and s.ok <> 'ta';

-- ---------------------------------------------------------------- timesheet

insert into accounts_dep.h_tabel
    (w_id, smena, month, year,
     d1, d2, d3, d4, d5, d6, d7, d8, d9, d10, d11, d12, d13, d14, d15, d16,
     d17, d18, d19, d20, d21, d22, d23, d24, d25, d26, d27, d28, d29, d30, d31)
select w_id, smena, extract(month from data), extract(year from data),
       coalesce(sum(t) filter (where dd = 1), 0),  coalesce(sum(t) filter (where dd = 2), 0),
       coalesce(sum(t) filter (where dd = 3), 0),  coalesce(sum(t) filter (where dd = 4), 0),
       coalesce(sum(t) filter (where dd = 5), 0),  coalesce(sum(t) filter (where dd = 6), 0),
       coalesce(sum(t) filter (where dd = 7), 0),  coalesce(sum(t) filter (where dd = 8), 0),
       coalesce(sum(t) filter (where dd = 9), 0),  coalesce(sum(t) filter (where dd = 10), 0),
       coalesce(sum(t) filter (where dd = 11), 0), coalesce(sum(t) filter (where dd = 12), 0),
       coalesce(sum(t) filter (where dd = 13), 0), coalesce(sum(t) filter (where dd = 14), 0),
       coalesce(sum(t) filter (where dd = 15), 0), coalesce(sum(t) filter (where dd = 16), 0),
       coalesce(sum(t) filter (where dd = 17), 0), coalesce(sum(t) filter (where dd = 18), 0),
       coalesce(sum(t) filter (where dd = 19), 0), coalesce(sum(t) filter (where dd = 20), 0),
       coalesce(sum(t) filter (where dd = 21), 0), coalesce(sum(t) filter (where dd = 22), 0),
       coalesce(sum(t) filter (where dd = 23), 0), coalesce(sum(t) filter (where dd = 24), 0),
       coalesce(sum(t) filter (where dd = 25), 0), coalesce(sum(t) filter (where dd = 26), 0),
       coalesce(sum(t) filter (where dd = 27), 0), coalesce(sum(t) filter (where dd = 28), 0),
       coalesce(sum(t) filter (where dd = 29), 0), coalesce(sum(t) filter (where dd = 30), 0),
       coalesce(sum(t) filter (where dd = 31), 0)
from (select w_id, smena, data, extract(day from data) as dd, coalesce(sum(time), 0) as t
      from accounts_dep.smena group by w_id, smena, data) d
group by w_id, smena, extract(month from data), extract(year from data);

commit;

analyze;
