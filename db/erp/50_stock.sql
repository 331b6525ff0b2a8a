-- Stock of the ERP: consignments (batches) of a goods item kept at a stock,
-- the quantity on hand of each consignment and the part of it reserved for a
-- requisition. Free quantity = on hand less every reservation.

create schema whs_stock;

create table whs_stock.stock (
    id        t_id primary key,
    s_caption text not null
);

create table whs_stock.consignment (
    id       t_id primary key,
    id_gds   t_id not null references cmn_gds_and_srv.gds_and_srv(id),
    id_stock t_id not null references whs_stock.stock(id),
    s_number text not null,
    d_date   t_date not null
);
create index consignment_gds on whs_stock.consignment (id_gds);

create table whs_stock.balance (
    id_consignment t_id primary key references whs_stock.consignment(id),
    f_qty          numeric(18,3) not null check (f_qty >= 0)
);

create table whs_stock.reserve (
    id             t_id primary key,
    id_consignment t_id not null references whs_stock.consignment(id),
    id_doc         t_id not null references mnf_doc.doc(id),
    f_qty          numeric(18,3) not null check (f_qty > 0)
);
create index reserve_consignment on whs_stock.reserve (id_consignment);
create index reserve_doc on whs_stock.reserve (id_doc);
